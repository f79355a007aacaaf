#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <utility>
#include <vector>

// Sets or unsets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second.isNull())
                qunsetenv(it->first.constData());
            else
                qputenv(it->first.constData(), it->second);
        }
    }

    /// A null value unsets the variable.
    void set(const char* name, const QByteArray& value)
    {
        m_saved.emplace_back(QByteArray(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

private:
    std::vector<std::pair<QByteArray, QByteArray>> m_saved;
};
