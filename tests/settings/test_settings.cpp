// The settings file under the user's configuration folder: an old file is moved there once, a
// file that cannot be read or parsed is set aside as ".bad" with the defaults in force, and the
// chosen remote round-trips.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

#include "app/settings/app_settings.h"

namespace vanto::settings {
namespace {

constexpr int kDefaultLook = 32789;

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { NewFolder(); }
    // A configuration folder of its own: QSettings keeps what it read of a path for the process,
    // so a file written anew at the same path within the same moment could be read from memory.
    void NewFolder() {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->path()));
    }
    QString Path(const char* relative) const {
        return dir->filePath(QString::fromLatin1(relative));
    }

    std::unique_ptr<QTemporaryDir> dir;
};

TEST_F(SettingsFileTest, MovesOldFileSetsBadOnesAsideAndKeepsGoodOnes) {
    const char* file = "vanto-remote-manager/vanto-remote-manager.conf";
    const char* old = "Local AppWizard-Generated Applications/Tavro.conf";
    struct Case {
        const char* name;
        const char* path;    // what exists before the check
        QByteArray content;  // empty with isDir: a folder
        bool isDir;
        const char* notice;  // part of the notice, or "" for none
        int look;
        const char* setAside;  // the .bad file left behind, or ""
        bool isFifo = false;
    };
    const Case cases[] = {
        {"nothing yet", nullptr, {}, false, "", kDefaultLook, ""},
        {"good file", file, "[Workspace]\nApplicationLook=32781\n", false, "", 32781, ""},
        {"old file moved", old, "[Workspace]\nApplicationLook=32783\n", false, "moved from", 32783,
         ""},
        {"garbage", file, QByteArray("\x01\x9f[Work\xff\x00space\n=\n", 15), false,
         "cannot be parsed", kDefaultLook, "vanto-remote-manager/vanto-remote-manager.conf.bad"},
        {"a folder",
         file,
         {},
         true,
         "is not a regular file",
         kDefaultLook,
         "vanto-remote-manager/vanto-remote-manager.conf.bad"},
        // A FIFO would hold a blocking open forever.
        {"a fifo",
         file,
         {},
         false,
         "is not a regular file",
         kDefaultLook,
         "vanto-remote-manager/vanto-remote-manager.conf.bad",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewFolder();
        if (c.path && c.isFifo) {
            QDir().mkpath(QFileInfo(Path(c.path)).absolutePath());
            ASSERT_EQ(::mkfifo(QFile::encodeName(Path(c.path)).constData(), 0600), 0);
        } else if (c.path && c.isDir) {
            QDir().mkpath(Path(c.path));
        } else if (c.path) {
            Write(Path(c.path), c.content);
        }
        const QString notice = CheckSettingsFile();
        if (*c.notice) {
            EXPECT_TRUE(notice.contains(QString::fromLatin1(c.notice))) << notice.toStdString();
        } else {
            EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
        }
        EXPECT_EQ(ReadLook(kDefaultLook), c.look);
        if (*c.setAside) {
            EXPECT_TRUE(QFileInfo::exists(Path(c.setAside)));
        }
        EXPECT_FALSE(QFileInfo::exists(Path(old)));
        // The file is usable again: a write lands and reads back.
        WriteLook(32785);
        EXPECT_EQ(ReadLook(kDefaultLook), 32785);
        EXPECT_TRUE(QFileInfo(Path(file)).isFile());
    }
}

TEST_F(SettingsFileTest, ChosenRemoteRoundTrips) {
    EXPECT_FALSE(ReadChosenRemote());
    const UsbMatch withSerial{{{0x1a2b, 0x3c4d}}, "SN 1"};
    WriteChosenRemote(withSerial);
    EXPECT_EQ(ReadChosenRemote(), withSerial);
    const UsbMatch withoutSerial{{{0x1a2b, 0x3c4d}}, ""};
    WriteChosenRemote(withoutSerial);
    EXPECT_EQ(ReadChosenRemote(), withoutSerial);
    WriteChosenRemote(std::nullopt);
    EXPECT_FALSE(ReadChosenRemote());
    // An id list of earlier versions stands for the choice until one is made.
    QSettings(QStringLiteral("vanto-remote-manager"), QStringLiteral("vanto-remote-manager"))
        .setValue(QStringLiteral("Link/UsbIds"), QStringLiteral("1a2b:3c4d,5:6"));
    const auto old = ReadChosenRemote();
    ASSERT_TRUE(old);
    EXPECT_EQ(old->ids.size(), 2u);
    EXPECT_TRUE(old->serial.empty());
}

}  // namespace
}  // namespace vanto::settings
