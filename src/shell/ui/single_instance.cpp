#include "shell/ui/single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace demovia::ui {

SingleInstance::SingleInstance(const QString& name, const QString& folder)
{
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = QDir::tempPath();
    m_path = QDir(dir).filePath(name + ".lock");
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock file is stale only when its process is gone, never by its age.
    m_lock->setStaleLockTime(0);
    m_acquired = m_lock->tryLock(0);
}

SingleInstance::~SingleInstance() = default;

} // namespace demovia::ui
