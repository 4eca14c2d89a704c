#include "Dialogs.h"
#include "data/Errors.h"

namespace qv {

void guarded(Dialogs& dialogs, QWidget* parent, const std::function<void()>& action)
{
    try {
        action();
    } catch (const SilentAbort&) {
    } catch (const Error& e) {
        dialogs.showError(parent, applicationTitle(), withFullStop(e.message()));
    }
}

}  // namespace qv
