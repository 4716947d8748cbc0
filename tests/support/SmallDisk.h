// A full disk for the tests of writers: a tmpfs of 64 KiB mounted on a folder for the life of
// the object. Mounting needs the super-user (tests run as root in CI); where it is refused,
// Mounted is false and Reason says why, for GTEST_SKIP.
#pragma once

#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

class TSmallDisk {
public:
    explicit TSmallDisk(const QString& folder) : Folder(folder) {
        if (::mount("tmpfs", QFile::encodeName(Folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=64k") == 0)
            Mounted = true;
        else
            Reason = std::strerror(errno);
    }
    ~TSmallDisk() {
        if (Mounted)
            ::umount2(QFile::encodeName(Folder).constData(), MNT_DETACH);
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    // Writes a filler file until the disk refuses more.
    void Fill() const {
        const int file = ::open(QFile::encodeName(Folder + "/filler").constData(),
                                O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const std::string block(4096, 'f');
        while (file >= 0 && ::write(file, block.data(), block.size()) > 0) {
        }
        ::close(file);
    }

    const QString Folder;
    bool Mounted = false;
    std::string Reason;
};
