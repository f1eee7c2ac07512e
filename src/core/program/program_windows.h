#pragma once
// Where the program is assembled: the main window's other windows created and its menu items that
// open them wired. It stands above every window, so that no window includes one above it.
namespace ijken::survey {
class Form1;
}

namespace ijken::program {

// Creates the other windows in start-up order (gauge table, report, ship particulars, about box,
// language editor, survey list), none shown, and gives form1 what its menu items that open them
// do. Program start calls it once, after formcreate.
void create_windows(survey::Form1& form1);

}  // namespace ijken::program
