#include "core/forms/dispatch.h"

#include "core/forms/services.h"

namespace ijken::forms {

bool dispatch(Dialogs& dialogs, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const ScriptError&) {
        throw;
    } catch (const std::exception& e) {
        dialogs.error(e.what());
    } catch (...) {
        dialogs.error("Onbekende fout");
    }
    return false;
}

}  // namespace ijken::forms
