#include "HeadlessDialogs.h"

#include <cstdio>

namespace qv {

bool HeadlessDialogs::confirm(QWidget*, const QString&, const QString&)
{
    return false;
}

void HeadlessDialogs::notify(QWidget*, const QString&, const QString& text)
{
    tell(text);
}

void HeadlessDialogs::showError(QWidget*, const QString&, const QString& text)
{
    tell(text);
}

void HeadlessDialogs::tell(const QString& text)
{
    messageShown_ = true;
    std::fprintf(stderr, "quorvane: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (onMessage)
        onMessage(text);
}

}  // namespace qv
