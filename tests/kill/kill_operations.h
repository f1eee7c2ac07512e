#pragma once
// The kinds of work the kill test interrupts. The driver (driver/kill_driver.cpp) does one of them
// over and over in a process of its own; the test kills that process at a random moment and then
// asks the operation whether the program directory is still sound.
//
// Adding a kind of work: one class deriving from Operation, and one line in operations() in
// kill_operations.cpp.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ijken::killtest {

class Operation {
  public:
    virtual ~Operation() = default;
    virtual std::string name() const = 0;

    // In the test, before each start of the driver: brings the program directory into the state
    // this operation starts from (round 0 is the first start of a run).
    virtual void prepare(const std::filesystem::path& dir, int round) = 0;

    // In the driver: does the work in the program directory (with its trailing separator), and calls
    // done(record) at each moment the program tells its user that a piece of work is done. Runs until
    // killed, or returns when the work has an end.
    virtual void run(const std::string& program_dir, const std::function<void(const std::string&)>& done) = 0;

    // In the test, after the kill: what is wrong with the directory, given every record the driver
    // reported done before it died; empty when all is well.
    virtual std::string check(const std::filesystem::path& dir, const std::vector<std::string>& done) = 0;

    // Whether run returns by itself; the test then times one whole run to spread its kills over it.
    virtual bool finishes() const = 0;
    // For work that never ends: the kill comes within this many milliseconds of the start.
    virtual int kill_window_ms() const { return 300; }
};

// Every operation, in a fixed order.
const std::vector<std::unique_ptr<Operation>>& operations();
Operation* find_operation(const std::string& name);

// PRAGMA integrity_check of the database, "ok" when sound.
std::string integrity(const std::string& db_path);

}  // namespace ijken::killtest
