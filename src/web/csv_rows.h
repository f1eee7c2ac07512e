#pragma once
// The office's CSV file (fleet::write_office_csv) narrowed to one installation or one ship number,
// as the survey list narrows it: the header and the lines of that installation (and number) pass,
// the others do not. Records are told apart by the file's own quoting, so a text with line breaks
// or commas stays one record.
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>

namespace ijken::web {

struct CsvNarrowing {
    std::optional<std::string> installation;  // the first column
    std::optional<std::string> ship;          // the second column (the ship's number)
    bool any() const { return installation || ship; }
};

class CsvRows : public std::streambuf {
  public:
    CsvRows(std::ostream& out, CsvNarrowing narrowing);
    ~CsvRows() override;
    long long passed() const { return passed_; }  // lines after the header

  protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

  private:
    void put(char c);
    void end_record();
    std::ostream& out_;
    CsvNarrowing narrowing_;
    std::string record_;
    bool quoted_ = false, header_ = true;
    long long passed_ = 0;
};

}  // namespace ijken::web
