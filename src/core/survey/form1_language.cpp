// The main window's interface languages: translating every window, switching the language.
#include "core/survey/form1.h"

namespace ijken::survey {

void Form1::Vertaal() {}

void Form1::NL1Click() {}

void Form1::FR1Click() {}

void Form1::DE1Click() {}

void Form1::Maaktaalfile1Click() {}

}  // namespace ijken::survey
