#include "FakeDesktop.h"

#include <QDesktopServices>

namespace qv::test {

UrlRecorder::UrlRecorder(const QString& scheme)
    : m_scheme(scheme)
{
    QDesktopServices::setUrlHandler(m_scheme, this, "open");
}

UrlRecorder::~UrlRecorder()
{
    QDesktopServices::unsetUrlHandler(m_scheme);
}

} // namespace qv::test
