#include <string>
#include <vector>

#include "app/RunDriver.h"
#include "platform/FolderSource.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  Platform::PrepareProcess();
  std::vector<std::string> arguments = Platform::ProgramArguments(argc, argv);
  std::vector<char*> vector;
  for (std::string& argument : arguments) vector.push_back(argument.data());
  vector.push_back(nullptr);
  return RunFindlet(static_cast<int>(arguments.size()), vector.data(),
                    Platform::HostFolderSource());
}
