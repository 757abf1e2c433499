// A real tessd process for end-to-end tests: listening on an ephemeral loopback port, its data in
// a folder of the test's, stopped when this goes.
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tessan {

class TessdProcess {
  public:
    TessdProcess() = default;
    TessdProcess(const TessdProcess&) = delete;
    TessdProcess& operator=(const TessdProcess&) = delete;
    ~TessdProcess() { Stop(); }

    // Starts `program` with --data dataDir, --demo unless `demo` is false, and `extra`; true once
    // it reports its port.
    bool Start(const QString& program, const QString& dataDir, const QStringList& extra = {},
               bool demo = true);
    void Stop();
    int Port() const { return port_; }

  private:
    QProcess process_;
    int port_ = 0;
};

// Writes a serverlist.ini that sends each account prefix ("0086-10") to 127.0.0.1 and its port.
bool WriteLoopbackServerList(const QString& path,
                             const std::vector<std::pair<QByteArray, int>>& prefixPorts);

// The contents of every file a tessd with `dataDir` has stored, in no particular order.
QList<QByteArray> StoredFiles(const QString& dataDir);

}  // namespace tessan
