// Window operations of the shared module: the topmost band and the platform's own window move.
#include "forms/controls.h"
#include "msgdefs/msgdefs.h"

namespace quillon::msgdefs {

void SetTopmost(forms::WindowHandle window, VbBool on_top) {
  forms::backend().platform().set_topmost(window, on_top != 0);
}

void DragWindow(forms::Form& window) {
  forms::backend().platform().drag_window(window.hWnd());
}

}  // namespace quillon::msgdefs
