// The settings dialog as the notifier has it until its own room lands.
#pragma once

#include <windows.h>


#include "notifier/check/check_ports.h"

namespace qptn {

// No settings dialog yet: opening it changes nothing.
class NoSettingsDialog final : public SettingsDialogPort {
 public:
  void Run() override {}
};

}  // namespace qptn
