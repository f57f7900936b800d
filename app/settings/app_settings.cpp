#include "app/settings/app_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vanto::settings {
namespace {

constexpr char kName[] = "vanto-remote-manager";
// Where earlier versions kept their settings (the organisation and application names they gave
// QSettings).
constexpr char kOldOrganisation[] = "Local AppWizard-Generated Applications";
constexpr char kOldApplication[] = "Tavro";

constexpr char kLookKey[] = "Workspace/ApplicationLook";
constexpr char kRemoteIdKey[] = "Remote/UsbId";
constexpr char kRemoteSerialKey[] = "Remote/Serial";
// Earlier versions' list of ids, read when no remote is chosen.
constexpr char kOldIdsKey[] = "Link/UsbIds";

std::mutex g_lock;
QString g_notice;
std::once_flag g_checked;

// $XDG_CONFIG_HOME (~/.config by default), read anew on every call so tests can point it elsewhere.
QString ConfigDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString FilePath() {
    return ConfigDir() + QStringLiteral("/%1/%1.conf").arg(QString::fromLatin1(kName));
}

// QSettings opens its file as it is made, with a blocking open: only a path that passed Check(),
// or that is known to be a regular file, may be given to it.
std::unique_ptr<QSettings> Open() {
    return std::make_unique<QSettings>(FilePath(), QSettings::IniFormat);
}

// QSettings reads its file on the first access; status() says how that went.
QSettings::Status Probe(const QString& path) {
    QSettings probe(path, QSettings::IniFormat);
    probe.allKeys();
    return probe.status();
}

QString SetAside(const QString& path, const QString& why) {
    // An earlier set-aside file may be the only copy of older settings: it stays.
    QString bad = path + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(bad) || QFileInfo(bad).isSymLink(); ++n) {
        bad = path + QStringLiteral(".bad.%1").arg(n);
    }
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(bad).constData()) == 0) {
        return QStringLiteral(
                   "The settings file %1 %2; it was renamed to %3 and the defaults "
                   "are used.")
            .arg(path, why, bad);
    }
    return QStringLiteral(
               "The settings file %1 %2 and could not be set aside; the defaults "
               "are used.")
        .arg(path, why);
}

QString Check() {
    const QString path = FilePath();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        const QString old = ConfigDir() + QStringLiteral("/%1/%2.conf")
                                              .arg(QString::fromLatin1(kOldOrganisation),
                                                   QString::fromLatin1(kOldApplication));
        if (QFileInfo(old).isFile() && Probe(old) == QSettings::NoError) {
            QDir().mkpath(info.absolutePath());
            if (QFile::rename(old, path)) {
                return QStringLiteral("The settings were moved from %1 to %2.").arg(old, path);
            }
        }
        return {};
    }
    if (!info.isFile()) {
        return SetAside(path, QStringLiteral("is not a regular file"));
    }
    const QSettings::Status status = Probe(path);
    if (status == QSettings::AccessError || !info.isReadable()) {
        return SetAside(path, QStringLiteral("cannot be read"));
    }
    if (status == QSettings::FormatError) {
        return SetAside(path, QStringLiteral("cannot be parsed"));
    }
    return {};
}

void CheckOnce() {
    const QString notice = Check();
    std::lock_guard<std::mutex> guard(g_lock);
    g_notice = notice;
}

std::unique_ptr<QSettings> Checked() {
    std::call_once(g_checked, CheckOnce);
    return Open();
}

}  // namespace

QString CheckSettingsFile() {
    return Check();
}

QString SettingsNotice() {
    std::call_once(g_checked, CheckOnce);
    std::lock_guard<std::mutex> guard(g_lock);
    return g_notice;
}

QString SettingsFilePath() {
    return FilePath();
}

int ReadLook(int fallback) {
    bool ok = false;
    const int id = Checked()->value(QString::fromLatin1(kLookKey), fallback).toInt(&ok);
    return ok ? id : fallback;
}

void WriteLook(int id) {
    Checked()->setValue(QString::fromLatin1(kLookKey), id);
}

std::optional<UsbMatch> ReadChosenRemote() {
    const auto settings = Checked();
    std::string error;
    UsbMatch match;
    const std::string id =
        settings->value(QString::fromLatin1(kRemoteIdKey)).toString().trimmed().toStdString();
    if (!id.empty()) {
        std::vector<UsbId> ids;
        if (!ParseUsbIdList(id, ids, error) || ids.size() != 1) {
            return std::nullopt;
        }
        match.ids = ids;
        match.serial =
            settings->value(QString::fromLatin1(kRemoteSerialKey)).toString().toStdString();
        return match;
    }
    const std::string oldIds =
        settings->value(QString::fromLatin1(kOldIdsKey)).toString().trimmed().toStdString();
    if (!oldIds.empty() && ParseUsbIdList(oldIds, match.ids, error)) {
        return match;
    }
    return std::nullopt;
}

void WriteChosenRemote(const std::optional<UsbMatch>& remote) {
    const auto settings = Checked();
    settings->remove(QString::fromLatin1(kOldIdsKey));
    if (!remote || remote->Empty()) {
        settings->remove(QStringLiteral("Remote"));
        return;
    }
    settings->setValue(QString::fromLatin1(kRemoteIdKey),
                       QString::fromStdString(FormatUsbId(remote->ids.front())));
    if (remote->serial.empty()) {
        settings->remove(QString::fromLatin1(kRemoteSerialKey));
    } else {
        settings->setValue(QString::fromLatin1(kRemoteSerialKey),
                           QString::fromStdString(remote->serial));
    }
}

}  // namespace vanto::settings
