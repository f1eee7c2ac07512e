// The main window's ships menus: selecting and deleting a ship.
#include "core/survey/form1.h"

namespace ijken::survey {

void Form1::bouw_schepenmenu() {}

void Form1::maakschepenmenuclick(forms::MenuItem&) {}

void Form1::deleteschipclick(forms::MenuItem&) {}

}  // namespace ijken::survey
