// Placeholder until the message window lands: the call shows nothing and returns 0.
#include "component/quillon.h"

namespace quillon {

std::int16_t Quillon::MsgBox(const std::wstring&, std::int16_t, const std::wstring&) { return 0; }

}  // namespace quillon
