#include "platform/files/user_folders.h"

#include <QFile>
#include <QStandardPaths>

namespace veldo {

std::filesystem::path UserMusicFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (folder.isEmpty()) return {};
#ifdef _WIN32
    return std::filesystem::path(folder.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(folder).toStdString());
#endif
}

} // namespace veldo
