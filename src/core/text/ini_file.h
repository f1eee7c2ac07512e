#pragma once
// INI files as the language files use them: "[section]" headers and "key=value" lines, read and
// written as Windows-1252 bytes with CR LF line ends.
//
// Reading: sections and keys match without regard to case; where a section or a key occurs twice
// the first one counts. A value is the text after the first "=", blanks around it removed, one
// pair of enclosing quotation marks dropped, at most max_value_length characters of it. An empty
// value counts as missing. A file saved as UTF-8 by some editor (with or without a byte-order
// mark) is recognised and its values come out as Windows-1252.
//
// Writing replaces the value of an existing key in place and otherwise adds the key at the end of
// its section (the section at the end of the file when missing); every other line stays as it
// was. A file is replaced whole through a temporary file beside it, so that a failed or
// interrupted write never leaves it half-written.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/text/file_writer.h"

namespace ijken::text {

// How a language file's bytes are encoded: Windows-1252, as the program writes them, or UTF-8 as
// some other editor may have saved them, with or without a byte-order mark.
enum class TextEncoding { cp1252, utf8, utf8_bom };

// The encoding a file is read in: UTF-8 with a mark when the bytes start with one, UTF-8 when they
// are valid UTF-8 with at least one character beyond ASCII, otherwise Windows-1252. IniFile reads
// its files by the same rule.
TextEncoding detect_encoding(std::string_view bytes);
// A file's bytes as Windows-1252 text (the mark dropped). Throws EncodingError for a character
// Windows-1252 cannot hold, or broken UTF-8: text given back to the file must not lose it.
std::string decode_text(std::string_view bytes, TextEncoding encoding);
// Windows-1252 text as the bytes of a file in that encoding. A Windows-1252 text whose bytes would
// read as UTF-8 (an "\xC3\xA9" typed into a file with no other accents) is written as UTF-8, so
// that it reads back as it was meant.
std::string encode_text(std::string_view cp1252, TextEncoding encoding);

class IniFile {
  public:
    static constexpr std::size_t max_value_length = 2047;

    IniFile();
    ~IniFile();
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;

    // Parses a file's bytes; never fails (whatever is not a header or an entry is kept as it is).
    static IniFile parse(std::string bytes);
    // The file's contents; a file that does not exist or cannot be read reads as empty.
    static IniFile read(const std::filesystem::path& path);
    // The file's contents for changing them: a missing file is empty, but an existing one that
    // cannot be read throws FileWriteError (writing it would lose what it holds).
    static IniFile read_for_update(const std::filesystem::path& path);

    // The value of key in section, empty when either is missing.
    std::string value(std::string_view section, std::string_view key) const;
    // Sets the value of key in section, adding the section and the key when missing.
    void set_value(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes: every line followed by CR LF. A Windows-1252 file whose bytes would read
    // as UTF-8 is written as UTF-8, so that its values read back unchanged.
    std::string bytes() const;
    // Replaces the file with bytes() (see replace_file).
    void save(const std::filesystem::path& path) const;

  private:
    struct Section;
    struct Data;

    Section* find_section(std::string_view name) const;
    std::string to_file_encoding(std::string_view cp1252) const;

    // Parsing a long file costs one pass over its lines: the lines are views into the file's
    // bytes, and a section's keys are indexed only when a key of it is first asked for.
    std::unique_ptr<Data> data_;
};

// The value of key in section of the file at path, or default_value when it is missing or empty.
std::string ini_read(const std::filesystem::path& path, std::string_view section, std::string_view key,
                     std::string_view default_value = {});

// Sets key in section of the file at path, creating the file, the section and the key as needed;
// the change is on the disk when the call returns. Throws FileWriteError.
void ini_write(const std::filesystem::path& path, std::string_view section, std::string_view key,
               std::string_view value);

}  // namespace ijken::text
