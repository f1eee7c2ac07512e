#pragma once
// The default language files, held in the program: written beside it at start when missing.
#include <string>
#include <string_view>
#include <vector>

namespace ijken::lang {

// The Dutch ("tln.tln", 71 lines) and French ("tlf.tln", 70 lines) default files, as Windows-1252
// bytes with CR LF after every line.
const std::string& default_tln();
const std::string& default_tlf();

// Writes "tlf.tln", then "tln.tln", into program_dir (which ends with its separator), each only
// when no file of that name exists: a file the user edited is never overwritten. Throws
// text::FileWriteError ("Unable to write to ...") at the first file that cannot be written.
void write_default_files(const std::string& program_dir);

// A language file delivered beside the program rather than held in it (the German "tld.tln",
// which an installation puts in PREFIX/share/ijken): copied into dir (ending with its separator)
// from the first of source_dirs that has it, when dir has no file of that name, so that the
// program reads it, and the language editor edits it, where the other files are. A file in dir is
// never replaced. Returns whether dir has the file now. Throws text::FileWriteError when the copy
// cannot be written.
bool copy_delivered_file(const std::string& name, const std::vector<std::string>& source_dirs,
                         const std::string& dir);

}  // namespace ijken::lang
