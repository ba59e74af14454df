#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace zvonmat_test {

// Sets an environment variable (unsets it for nullptr) for the length of a scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) {
            saved_ = qgetenv(name);
        }
        value != nullptr ? qputenv(name, value) : qunsetenv(name);
    }
    ~ScopedEnv() { saved_ ? qputenv(name_, *saved_) : qunsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<QByteArray> saved_;
};

}  // namespace zvonmat_test
