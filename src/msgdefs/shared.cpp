#include "msgdefs/shared.h"

namespace quillon::msgdefs {

SharedSettings& shared() {
  thread_local SharedSettings settings;
  return settings;
}

}  // namespace quillon::msgdefs
