#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {
namespace {

QString configFolder()
{
    // A relative or empty XDG_CONFIG_HOME is not a valid setting and is
    // ignored, as the freedesktop base directory rules ask.
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir::homePath() + u"/.config"_s;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

struct KeyFile
{
    GKeyFile *file = g_key_file_new();
    ~KeyFile() { g_key_file_free(file); }
    KeyFile() = default;
    Q_DISABLE_COPY_MOVE(KeyFile)

    // Comments and translations are kept so that writing the file back
    // changes nothing but the removed key.
    bool load(const QByteArray &path)
    {
        const auto flags = GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
        return g_key_file_load_from_file(file, path.constData(), flags, nullptr);
    }
};

// Replaces path with data through a temporary file in the same folder, so the
// file on disk is always either the old or the new one. Keeps the mode and,
// where allowed, the owner. Returns errno on failure.
int replaceFileContents(const QByteArray &path, const char *data, gsize size,
                        const struct stat &original)
{
    QByteArray temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    auto removeTemporary = qScopeGuard([&] { ::unlink(temporary.constData()); });

    int error = 0;
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
        // Only root may hand the file back to its owner; anyone else keeps
        // the file as their own, which is what they could write anyway.
        [[maybe_unused]] const int handedBack = ::fchown(fd, original.st_uid, original.st_gid);
    }
    for (gsize written = 0; error == 0 && written < size;) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            written += gsize(n);
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), path.constData()) != 0)
        error = errno;
    if (error == 0)
        removeTemporary.dismiss();
    return error;
}

} // namespace

std::u16string settingsStorePath(std::u16string_view application, std::u16string_view)
{
    return (configFolder() + u'/' + QString::fromStdU16String(std::u16string(application)) + u".ini"_s).toStdU16String();
}

std::u16string readSetting(std::u16string_view application, std::u16string_view section_, std::u16string_view key_)
{
    const QString section = QString::fromStdU16String(std::u16string(section_)), key = QString::fromStdU16String(std::u16string(key_));
    KeyFile keyFile;
    if (!keyFile.load(QFile::encodeName(QString::fromStdU16String(settingsStorePath(application, section_)))))
        return {};
    // The raw value: the main product's folders are written as they are, and
    // a backslash in them is no escape.
    gchar *value = g_key_file_get_value(keyFile.file, section.toUtf8().constData(),
                                        key.toUtf8().constData(), nullptr);
    const QString result = QString::fromUtf8(value);
    g_free(value);
    return result.toStdU16String();
}

SettingDeletion deleteSetting(std::u16string_view application, std::u16string_view section_, std::u16string_view key_)
{
    const QString section = QString::fromStdU16String(std::u16string(section_)), key = QString::fromStdU16String(std::u16string(key_));
    SettingDeletion result;
    result.storePath = settingsStorePath(application, section_);
    auto fail = [&](SettingDeletion::Outcome outcome, const QString &reason = {}) {
        result.outcome = outcome;
        result.reason = reason.toStdU16String();
        return result;
    };

    // Write through a symbolic link to the file it names, as an editor would.
    const QByteArray linkPath = QFile::encodeName(QString::fromStdU16String(result.storePath));
    char *resolved = ::realpath(linkPath.constData(), nullptr);
    if (!resolved)
        return errno == ENOENT ? fail(SettingDeletion::Outcome::NotFound)
                               : fail(SettingDeletion::Outcome::NotWritable, systemReason(errno));
    const QByteArray path(resolved);
    std::free(resolved);

    if (::access(path.constData(), R_OK) != 0)
        return fail(SettingDeletion::Outcome::NotWritable, systemReason(errno));
    // A file that cannot be parsed holds no setting as far as reading goes,
    // so there is nothing registered to delete.
    KeyFile keyFile;
    if (!keyFile.load(path))
        return fail(SettingDeletion::Outcome::NotFound);
    if (!g_key_file_remove_key(keyFile.file, section.toUtf8().constData(), key.toUtf8().constData(),
                               nullptr))
        return fail(SettingDeletion::Outcome::NotFound);

    // The replacement below writes a new file and renames it, which needs
    // only the folder's permission; ask first whether this file may be
    // written, as a write in place would.
    if (::access(path.constData(), W_OK) != 0)
        return fail(SettingDeletion::Outcome::NotWritable, systemReason(errno));
    struct stat original = {};
    if (::stat(path.constData(), &original) != 0)
        return fail(SettingDeletion::Outcome::NotWritable, systemReason(errno));

    gsize size = 0;
    gchar *data = g_key_file_to_data(keyFile.file, &size, nullptr);
    const int writeError = replaceFileContents(path, data, size, original);
    g_free(data);
    if (writeError != 0)
        return fail(SettingDeletion::Outcome::NotWritable, systemReason(writeError));
    return result;
}

} // namespace platform
