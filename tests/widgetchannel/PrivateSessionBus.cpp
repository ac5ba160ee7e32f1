#include "widgetchannel/PrivateSessionBus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

extern char** environ;

namespace widgetchannel_tests {
namespace {

const PrivateSessionBus* currentBus = nullptr;

// A session bus that anyone of this user may use and that starts nothing on demand.
QByteArray configuration(const QString& folder) {
    return QByteArrayLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:dir=") +
           QFile::encodeName(folder) +
           QByteArrayLiteral(
               "</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n");
}

// The first line the daemon prints on the descriptor: its address.
std::string readAddress(int fd) {
    std::string text;
    for (;;) {
        pollfd readable{fd, POLLIN, 0};
        const int ready = ::poll(&readable, 1, 30000);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return {};
        char chunk[256];
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return {};
        text.append(chunk, static_cast<std::size_t>(count));
        if (const auto newline = text.find('\n'); newline != std::string::npos) return text.substr(0, newline);
    }
}

}  // namespace

PrivateSessionBus::PrivateSessionBus() {
    currentBus = this;
    QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/vellumark-bus-XXXXXX"));
    temporary.setAutoRemove(false);
    folder_ = temporary.path();
    const QString configFile = folder_ + QStringLiteral("/bus.conf");
    QFile config(configFile);
    int fds[2] = {-1, -1};
    if (temporary.isValid() && config.open(QIODevice::WriteOnly) && config.write(configuration(folder_)) > 0 &&
        (config.close(), ::pipe2(fds, O_CLOEXEC) == 0)) {
        std::string configArgument = "--config-file=" + QFile::encodeName(configFile).toStdString();
        std::string program = "dbus-daemon", noFork = "--nofork", printAddress = "--print-address=3";
        char* argv[] = {program.data(), configArgument.data(), noFork.data(), printAddress.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);  // its start-up grumbles
        pid_t pid = -1;
        if (::posix_spawnp(&pid, "dbus-daemon", &actions, nullptr, argv, environ) == 0) daemon_ = pid;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (daemon_ > 0) address_ = QString::fromStdString(readAddress(fds[0]));
        ::close(fds[0]);
    }
    if (address_.isEmpty()) {
        if (daemon_ > 0) {
            ::kill(daemon_, SIGTERM);
            ::waitpid(daemon_, nullptr, 0);
            daemon_ = -1;
        }
        address_ = QStringLiteral("unix:path=") + folder_ + QStringLiteral("/no-bus-here");
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit().constData(), 1);
}

PrivateSessionBus::~PrivateSessionBus() {
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
    QDir(folder_).removeRecursively();
    currentBus = nullptr;
}

const PrivateSessionBus* PrivateSessionBus::current() { return currentBus; }

}  // namespace widgetchannel_tests
