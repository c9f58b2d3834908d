// The health checks and their plain answer.
#include "show/health_check.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "common/cgi/cgi_request.h"
#include "common/files/path.h"
#include "common/settings/group_file.h"
#include "common/settings/settings_file.h"

namespace {

bool inMyGroups(gid_t group) {
  if (group == ::getegid()) return true;
  int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  count = ::getgroups(count, groups.data());
  for (int i = 0; i < count; ++i)
    if (groups[static_cast<size_t>(i)] == group) return true;
  return false;
}

// A folder that does not exist passes when it can be made in its parent.
bool writableFolder(const std::string& path, bool mayBeMissing) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0)
    return errno == ENOENT && mayBeMissing &&
           writableFolder(directoryOf(path.substr(0, path.size() - 1)).str(), false);
  // access(2) sees what the bits do not: a file system mounted read-only.
  return directoryWritableByMe(info) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool directoryWritableByMe(const struct stat& info) {
  if (!S_ISDIR(info.st_mode)) return false;
  mode_t needed = 0;
  if (info.st_uid == ::geteuid()) {
    needed = S_IWUSR | S_IXUSR;
  } else if (inMyGroups(info.st_gid)) {
    needed = S_IWGRP | S_IXGRP;
  } else {
    needed = S_IWOTH | S_IXOTH;
  }
  return (info.st_mode & needed) == needed;
}

std::string failedHealthCheck(const std::string& home) {
  bool readable = false;
  Text content = readFileBytes(Text(home + "kalder.ini"), &readable);
  if (!readable) return "settings";
  if (!writableFolder(home, false)) return "home";
  if (!writableFolder(home + "outbox/", true)) return "outbox";
  if (!writableFolder(home + "webhooks/", true)) return "webhooks";
  SystemSettings settings = parseSettingsFile(content.view());
  for (const Param& entry : settings.groups) {
    Text groupFile = readFileBytes(entry.value);
    GroupDescription group = parseGroupFile(groupFile.view(), entry.value);
    if (!writableFolder(group.workDir.str(), false)) return "workdir " + entry.name.str();
  }
  return "";
}

bool asksForHealth(const RequestContext& request) {
  ParamList query;
  parseParams(request.variables.value("QUERY_STRING").view(), '&', query);
  return query.value("health") == "1";
}

int answerHealthRequest(const RequestContext& request) {
  CgiRequest answer(request, nullptr, "KALDERHOME");
  std::string failed = failedHealthCheck(answer.home().str());
  if (!failed.empty()) answer.setStatus("503 Service Unavailable");
  answer.writeHeader("text/plain; charset=utf-8");
  answer.writeDirect(failed.empty() ? "ok\n" : failed + "\n");
  std::fflush(answer.output());
  return 0;
}
