#include "app/PageOutput.h"

#include <algorithm>
#include <iostream>

#include "io/Links.h"
#include "platform/OutputPlace.h"
#include "templates/PageTemplates.h"

namespace {

// A page's first line, line feed included.
std::string_view FirstLine(const PageTemplate& page) {
  const std::string_view head(page.Head);
  return head.substr(0, head.find('\n') + 1);
}

}  // namespace

std::string OutputPagePath(std::string_view path, Platform::FolderSource& folders) {
  std::string page(path);
  if (path.ends_with('\\') || path.ends_with('/')) return page.append("search.html");
  if (folders.IsFolder(page)) page.append("\\search.html");
  return page;
}

bool PreparePageOutput(const RunState& run, Platform::FolderSource& folders, PageOutput& output) {
  if (!run.Output) {
    output = {run.Walk.RootPath + "\\search.html", ".", false};
    return true;
  }
  output = {OutputPagePath(*run.Output, folders), ".", true};
  Platform::FolderPlace page;
  Platform::FolderPlace root;
  if (output.Path.empty() || !Platform::GetFileFolderPlace(output.Path.c_str(), page)) {
    std::cout << "*** Output folder not found ***\n\n";
    PrintPageFailure(output.Path);
    return false;
  }
  // The folder whose entries the walk names RootPath "\" NAME.
  if (!Platform::GetFolderPlace((run.Walk.RootPath + "\\").c_str(), root) ||
      !MayReplaceWithPage(output.Path)) {
    PrintPageFailure(output.Path);
    return false;
  }
  output.LinkBase = IO::LinkBase(page.Path, root.Path, page.FileSystem == root.FileSystem);
  return true;
}

bool MayReplaceWithPage(const std::string& path) {
  const std::string_view light = FirstLine(LightPageTemplate);
  const std::string_view dark = FirstLine(DarkPageTemplate);
  std::string start;
  const Platform::PathHolds holds =
      Platform::ReadFileStart(path.c_str(), std::max(light.size(), dark.size()), start);
  if (holds == Platform::PathHolds::Nothing ||
      (holds == Platform::PathHolds::PlainFile &&
       (start.empty() || start.starts_with(light) || start.starts_with(dark)))) {
    return true;
  }
  std::cout << "*** Not a Findlet page: left as it was ***\n\n";
  return false;
}

void PlacePageInWalk(std::string_view pagePath, IO::WalkOptions& walk) {
  // Either separator may stand in a path given on POSIX; the walk's own
  // folder texts join names with backslashes.
  std::string page(pagePath);
  std::string root = walk.RootPath;
  std::replace(page.begin(), page.end(), '/', '\\');
  std::replace(root.begin(), root.end(), '/', '\\');
  const std::size_t slash = page.rfind('\\');
  walk.PageInTree = slash != std::string::npos && page.starts_with(root) &&
                    (slash == root.size() || page[root.size()] == '\\');
  if (!walk.PageInTree) return;
  walk.PageFolder = page.substr(root.size(), slash - root.size());
  walk.PageName = page.substr(slash + 1);
}

void PrintPageFailure(const std::string& path) {
  std::cout << "*** Can't output file ***\n\n"
            << "Output filepath failed: " << path << "\n\n";
}
