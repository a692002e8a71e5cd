#include "batch/ReportBuffer.h"

bool ReportBuffer::append(const QString& text) {
    if (m_text.size() + text.size() > m_capacity)
        return false;
    m_text += text;
    return true;
}

bool ReportBuffer::removeTail(const QString& tail) {
    if (!m_text.endsWith(tail))
        return false;
    m_text.chop(tail.size());
    return true;
}
