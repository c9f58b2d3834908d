// Starting programs with a CGI environment and collecting their output.
#include "support/cgi_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "support/fastcgi_client.h"
#include "support/test_home.h"

std::string programPath(const std::string& name) {
  return std::string(KALDER_BIN_DIR) + "/" + name;
}

CgiResult runCommand(const std::string& command) {
  CgiResult result;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) result.output += buffer;
    result.status = WEXITSTATUS(pclose(pipe));
  }
  return result;
}

std::string atFakeTime(const std::string& when) {
  return "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 faketime '" + when +
         "' ";
}

CgiResult runMailCommand(const std::string& home, const std::string& arguments) {
  return runCommand(programPath("insert") + " --flush-mail " + arguments + " --home " + home);
}

namespace {

std::string tempName(const char* kind) {
  static int serial = 0;
  return std::filesystem::temp_directory_path().string() + "/kalder-" + kind + "-" +
         std::to_string(getpid()) + "-" + std::to_string(++serial);
}

}  // namespace

CgiProcess::CgiProcess(const std::string& program, const Environment& env, const std::string& body)
    : inputPath_(tempName("in")), outputPath_(tempName("out")) {
  writeFile(inputPath_, body);
  std::vector<std::string> entries;
  for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    int in = open(inputPath_.c_str(), O_RDONLY);
    int out = open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    // A CGI server starts the program in the directory of its file.
    if (auto script = env.find("SCRIPT_FILENAME"); script != env.end()) {
      std::string directory = script->second.substr(0, script->second.find_last_of('/'));
      if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
    }
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
}

CgiProcess::~CgiProcess() {
  if (pid_ > 0) wait(0);
  std::remove(inputPath_.c_str());
  std::remove(outputPath_.c_str());
}

CgiResult CgiProcess::wait(int timeoutSeconds) {
  CgiResult result;
  if (pid_ <= 0) return result;
  int status = 0;
  std::time_t deadline = std::time(nullptr) + timeoutSeconds;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::time(nullptr) >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    usleep(1000);
  }
  pid_ = -1;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.output = readFile(outputPath_);
  return result;
}

CgiResult runCgi(const std::string& program, const Environment& env, const std::string& body) {
  if (fastCgiMode()) return residentServer(program).request(env, body);
  CgiProcess process(program, env, body);
  return process.wait();
}

Environment getEnvironment(const std::string& home, const std::string& program,
                           const std::string& group, const std::string& query) {
  Environment env{{"REQUEST_METHOD", "GET"},
                  {"QUERY_STRING", query},
                  {"SCRIPT_NAME", "/cgi-bin/" + program + ".exe"},
                  {"KALDERHOME", home},
                  {"REMOTE_ADDR", "192.0.2.7"},
                  {"PATH", "/usr/bin:/bin"}};
  if (!group.empty()) {
    env["PATH_INFO"] = "/" + group;
    env["PATH_TRANSLATED"] = "/var/www/" + group;
  }
  return env;
}

Environment postEnvironment(const std::string& home, const std::string& program,
                            const std::string& group, const std::string& query,
                            const std::string& body) {
  Environment env = getEnvironment(home, program, group, query);
  env["REQUEST_METHOD"] = "POST";
  env["CONTENT_LENGTH"] = std::to_string(body.size());
  env["CONTENT_TYPE"] = "application/x-www-form-urlencoded";
  return env;
}
