#include "platform/platform.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <strings.h>

namespace platform {

namespace {
uint32_t (*g_tickSource)() = nullptr;
void (*g_debuggerSink)(const std::string&) = nullptr;
void (*g_messageBoxSink)(const std::string&, const std::string&) = nullptr;

bool IsDir(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

uint32_t Ticks() {
  if (g_tickSource) return g_tickSource();
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void SetTickSource(uint32_t (*source)()) { g_tickSource = source; }

void DebuggerOut(const std::string& text) {
  if (g_debuggerSink) {
    g_debuggerSink(text);
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

void SetDebuggerSink(void (*sink)(const std::string&)) { g_debuggerSink = sink; }

void Beep(uint32_t, uint32_t) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}

void MessageBox(const std::string& caption, const std::string& text) {
  if (g_messageBoxSink) {
    g_messageBoxSink(caption, text);
    return;
  }
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(caption.c_str()),
                    QString::fromLatin1(text.c_str()), QMessageBox::Ok);
    box.exec();
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void SetMessageBoxSink(void (*sink)(const std::string&, const std::string&)) { g_messageBoxSink = sink; }

void SetCursorPos(int x, int y) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) QCursor::setPos(x, y);
}

bool EnumDisplayMode(int, int&, int&, int&) { return false; }

DisplayChange ChangeDisplayMode(int, int, int, bool) { return DisplayChange::Failed; }

void ShowTaskbar() {}

std::string ProgramFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

int RunProcessAndWait(const std::string& program, const std::vector<std::string>& args) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  if (WIFEXITED(status)) {
    int code = WEXITSTATUS(status);
    return code == 127 ? -1 : code;
  }
  return -1;
}

void* LoadLibrary(const std::string& name) { return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* GetProcAddress(void* library, const std::string& name) {
  if (!library) return nullptr;
  return dlsym(library, name.c_str());
}

void FreeLibrary(void* library) {
  if (library) dlclose(library);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> ListFolder(const std::string& folder, bool wantFolders) {
  std::vector<std::string> names;
  std::string dir = folder.empty() ? std::string(".") : folder;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string full = dir + (dir.back() == '/' ? "" : "/") + n;
    if (IsDir(full) != wantFolders) continue;
    names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int c = strcasecmp(a.c_str(), b.c_str());
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

std::string DiskPath(const std::string& name) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.empty()) return path;
  // Walk the components; each is matched exactly first, then without regard to case.
  std::string result;
  size_t pos = 0;
  if (path[0] == '/') {
    result.push_back('/');
    pos = 1;
  }
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    std::string comp = path.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    if (!comp.empty() && comp != "." && comp != "..") {
      std::string base = result.empty() ? std::string(".") : result;
      std::string candidate = result + comp;
      if (access(candidate.c_str(), F_OK) != 0) {
        // Several names may differ only in case: take the first in listing order, so every
        // machine resolves the same one.
        for (bool folders : {true, false}) {
          bool found = false;
          for (const auto& entry : ListFolder(base, folders)) {
            if (strcasecmp(entry.c_str(), comp.c_str()) == 0) {
              comp = entry;
              found = true;
              break;
            }
          }
          if (found) break;
        }
      }
    }
    result += comp;
    if (next == std::string::npos) break;
    result += '/';
    pos = next + 1;
  }
  return result;
}

bool SetCurrentDir(const std::string& name) { return chdir(DiskPath(name).c_str()) == 0; }

std::string CurrentDir() {
  char buf[4096];
  if (!getcwd(buf, sizeof(buf))) return std::string();
  return buf;
}

}  // namespace platform
