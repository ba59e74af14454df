#pragma once

#include <QTemporaryDir>
#include <filesystem>

namespace zvonmat_test {

// An empty directory of its own, the working directory while the object lives.
class ScopedWorkDir {
  public:
    ScopedWorkDir() { std::filesystem::current_path(dir_.path().toStdString()); }
    ~ScopedWorkDir() { std::filesystem::current_path(old_); }
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    QString path() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }

  private:
    std::filesystem::path old_ = std::filesystem::current_path();
    QTemporaryDir dir_;
};

}  // namespace zvonmat_test
