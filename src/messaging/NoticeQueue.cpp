#include "NoticeQueue.h"

#include <QTimer>

NoticeQueue::NoticeQueue(Launcher& launcher, int batchSize, QObject* parent)
    : QObject(parent), m_launcher(launcher), m_batchSize(batchSize > 0 ? batchSize : 1)
{ }

int NoticeQueue::WinExec(const QString& commandLine, int showMode)
{
    Q_UNUSED(showMode) // every notice starts hidden
    m_lines.append(commandLine);
    if (!m_scheduled) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &NoticeQueue::startBatch);
    }
    return 33;
}

void NoticeQueue::startBatch()
{
    m_scheduled = false;
    const qsizetype end = std::min(m_lines.size(), m_next + m_batchSize);
    for (; m_next < end; ++m_next) {
        m_launcher.WinExecDetached(m_lines[m_next]);
    }
    if (m_next < m_lines.size()) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &NoticeQueue::startBatch);
    } else {
        m_lines.clear();
        m_next = 0;
    }
}
