// The procedure library's only entry point. No exception crosses it.
#include <exception>
#include <string>

#include "backend/validatedata/VDTRun.h"
#include "host/common/Messages.h"

extern "C" __attribute__((visibility("default"))) void VALIDATE() {
  try {
    vdt::RunValidateData();
  } catch (const std::exception& e) {
    HostReport(kMsgError, std::string("VALIDATEDATA stopped: ") + e.what());
  } catch (...) {
    HostReport(kMsgError, "VALIDATEDATA stopped by an unexpected failure.");
  }
}
