// TavroUpdateInstaller: started by the host application with
//   --manifest PATH --installed PATH --archive PATH --parent-pid PID
// Exits 0 silently on success, or prints one line on stderr and exits 1.
#include "TavroUpdateInstaller/InstallationRun.h"
#include "TavroUpdateInstaller/InstallerEntry.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  int status = tavro::installer::run(arguments, tavro::installer::HostWait::system(),
                                     tavro::installer::performInstallation, std::cerr);
  std::exit(status);
}
