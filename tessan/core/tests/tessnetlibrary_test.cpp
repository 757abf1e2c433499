// The adapter over the real library: what the library refuses or fails at on its own lands in the
// client's diagnostics file.
#include "core/library/tessnetlibrary.h"
#include "core/base/diagnostics.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessan {
namespace {

// A port of this machine where nothing listens.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

TEST(TessnetLibraryTest, TheLibrarysOwnLinesReachTheDiagnosticsFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("diagnostics.txt"));
    const DiagnosticsFile diagnostics(path);
    ASSERT_TRUE(diagnostics.IsOpen());
    ScriptedMessageBoxes boxes;
    ServerBoxes serverBoxes(boxes);
    TessnetLibrary library(serverBoxes);
    ASSERT_EQ(library.Init(folder.filePath(QStringLiteral("download")), [](const Notification&) {}),
              1);

    const int port = ClosedPort();
    EXPECT_EQ(library.ConnectServer("127.0.0.1", port, "0086-10-1", "key"), 0);
    library.Free();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(written.contains(QStringLiteral("warning tessan.engine: tessnet: connect to "
                                                "127.0.0.1:%1 failed (account 0086-10-1): ")
                                     .arg(port)))
        << written.toStdString();
}

}  // namespace
}  // namespace tessan
