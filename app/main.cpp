#include "app/RunDriver.h"
#include "platform/FolderSource.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  Platform::PrepareProcess();
  return RunFindlet(argc, argv, Platform::HostFolderSource());
}
