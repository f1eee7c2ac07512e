#include "core/forms/dispatch.h"

#include "core/forms/services.h"
#include "core/text/cp1252.h"

namespace ijken::forms {

bool dispatch(Dialogs& dialogs, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const ScriptError&) {
        throw;
    } catch (const text::EncodingError& e) {
        dialogs.error_utf8(e.what());
    } catch (const std::exception& e) {
        dialogs.error(e.what());
    } catch (...) {
        dialogs.error("Onbekende fout");
    }
    return false;
}

}  // namespace ijken::forms
