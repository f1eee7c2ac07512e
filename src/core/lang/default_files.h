#pragma once
// The default language files, held in the program: written beside it at start when missing.
#include <string>
#include <string_view>

namespace ijken::lang {

// The Dutch ("tln.tln", 71 lines) and French ("tlf.tln", 70 lines) default files, as Windows-1252
// bytes with CR LF after every line.
const std::string& default_tln();
const std::string& default_tlf();

// Writes "tlf.tln", then "tln.tln", into program_dir (which ends with its separator), each only
// when no file of that name exists: a file the user edited is never overwritten. Throws
// text::FileWriteError ("Unable to write to ...") at the first file that cannot be written.
void write_default_files(const std::string& program_dir);

}  // namespace ijken::lang
