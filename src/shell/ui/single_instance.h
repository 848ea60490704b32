#pragma once
#include <QString>

#include <memory>

class QLockFile;

namespace demovia::ui {

// The lock that keeps a second copy of the program from starting. It is
// held for as long as the object lives (the whole process); a lock left by a
// copy that died is taken over.
class SingleInstance {
public:
    // The lock file {runtime folder}/{name}.lock; folder empty means the
    // user's runtime folder, or the temporary folder when there is none.
    explicit SingleInstance(const QString& name, const QString& folder = QString());
    ~SingleInstance();

    // False when another running copy holds the lock.
    bool acquired() const { return m_acquired; }
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

} // namespace demovia::ui
