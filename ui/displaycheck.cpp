#include "ui/displaycheck.h"

#include <QLibraryInfo>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace la {

namespace {

std::string env(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// The parts of `text` between `separator`s, empty ones left out. (No string streams, no
// regular expressions: this runs at every start, and either would add to its memory.)
std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t to = std::min(text.find(separator, from), text.size());
        if (to > from)
            parts.push_back(text.substr(from, to - from));
        from = to + 1;
    }
    return parts;
}

// Whether a Unix socket at `path` accepts a connection; an abstract one when `abstract`.
bool unixSocketAnswers(const std::string &path, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const socklen_t length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answered = ::connect(fd, reinterpret_cast<sockaddr *>(&address), length) == 0;
    ::close(fd);
    return answered;
}

// Whether host:port accepts a TCP connection within two seconds.
bool tcpAnswers(const std::string &host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return false;
    bool answered = false;
    for (addrinfo *a = found; a && !answered; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            answered = true;
        } else if (errno == EINPROGRESS) {
            pollfd wait{fd, POLLOUT, 0};
            int error = 0;
            socklen_t size = sizeof error;
            answered = ::poll(&wait, 1, 2000) == 1 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return answered;
}

// Why the X display of DISPLAY cannot be reached, or empty.
std::string xProblem()
{
    const std::string display = env("DISPLAY");
    if (display.empty())
        return "DISPLAY is not set";
    const std::size_t colon = display.rfind(':');
    const std::string host = colon == std::string::npos ? "" : display.substr(0, colon);
    const std::string number = display.substr(colon == std::string::npos ? 0 : colon + 1);
    const std::string n = number.substr(0, number.find('.'));
    if (n.empty() || n.find_first_not_of("0123456789") != std::string::npos)
        return "DISPLAY is '" + display + "', which names no X display";
    if (host.empty() || host == "unix") {
        const std::string socket = "/tmp/.X11-unix/X" + n;
        if (unixSocketAnswers(socket, true) || unixSocketAnswers(socket, false))
            return {};
        return "nothing answers at the X display " + display + " (" + socket + ")";
    }
    if (tcpAnswers(host, 6000 + std::atoi(n.c_str())))
        return {};
    return "nothing answers at the X display " + display;
}

// Why the Wayland display of WAYLAND_DISPLAY cannot be reached, or empty.
std::string waylandProblem()
{
    std::string name = env("WAYLAND_DISPLAY");
    if (name.empty())
        return "WAYLAND_DISPLAY is not set";
    const std::string path = name[0] == '/' ? name : env("XDG_RUNTIME_DIR") + "/" + name;
    if (unixSocketAnswers(path, false))
        return {};
    return "nothing answers at the Wayland display " + name + " (" + path + ")";
}

// Whether a platform plugin whose file name starts with libq<name> is installed.
bool pluginInstalled(const std::string &name)
{
    std::vector<std::string> folders;
    if (const std::string own = env("QT_QPA_PLATFORM_PLUGIN_PATH"); !own.empty())
        folders.push_back(own);
    for (const std::string &folder : split(env("QT_PLUGIN_PATH"), ':'))
        folders.push_back(folder + "/platforms");
    folders.push_back(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms");
    const std::string prefix = "libq" + name;
    for (const std::string &folder : folders) {
        DIR *dir = ::opendir(folder.c_str());
        if (!dir)
            continue;
        bool found = false;
        while (const dirent *entry = ::readdir(dir)) {
            const std::string file = entry->d_name;
            if (file.rfind(prefix, 0) == 0 && file.size() > 3 &&
                file.compare(file.size() - 3, 3, ".so") == 0)
                found = true;
        }
        ::closedir(dir);
        if (found)
            return true;
    }
    return false;
}

// Why one platform of Qt's cannot open a window, or empty.
std::string platformProblem(const std::string &platform)
{
    const std::string name = platform.substr(0, platform.find(':'));
    const bool wayland = name.rfind("wayland", 0) == 0;
    if (!pluginInstalled(wayland ? "wayland" : name))
        return wayland ? "Qt's Wayland platform is not installed (sudo apt install qt6-wayland)"
                       : "there is no Qt platform '" + name + "' here";
    if (name == "xcb")
        return xProblem();
    if (wayland)
        return waylandProblem();
    return {}; // offscreen, vnc, eglfs...: nothing to ask beforehand
}

} // namespace

std::string displayProblem()
{
    const std::string asked = env("QT_QPA_PLATFORM");
    std::vector<std::string> platforms = split(asked, ';');
    if (asked.empty()) {
        if (env("XDG_SESSION_TYPE") == "wayland")
            platforms.push_back("wayland");
        platforms.push_back("xcb");
    }
    std::string why;
    for (const std::string &platform : platforms) {
        const std::string problem = platformProblem(platform);
        if (problem.empty())
            return {};
        why += (why.empty() ? "" : "; ") + problem;
    }
    if (!asked.empty())
        why += " (QT_QPA_PLATFORM is '" + asked + "': unset it, or name xcb or offscreen)";
    return "no display to open the window on: " + why +
           ". Start it from a desktop session, or under xvfb-run.";
}

} // namespace la
