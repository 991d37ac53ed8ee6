#include "mprisrootadaptor.h"

#include "mprisservice.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service)
    , m_service(service)
{
}

QString MprisRootAdaptor::Identity() const
{
    return QStringLiteral("Tunevault");
}

QString MprisRootAdaptor::DesktopEntry() const
{
    return QStringLiteral(TV_APP_ID);
}

QStringList MprisRootAdaptor::SupportedUriSchemes() const
{
    return {QStringLiteral("file")};
}

QStringList MprisRootAdaptor::SupportedMimeTypes() const
{
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/mp3")};
}

void MprisRootAdaptor::Raise()
{
    m_service.Raise();
}

void MprisRootAdaptor::Quit()
{
    m_service.Quit();
}
