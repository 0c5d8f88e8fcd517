#ifndef PLUGININTERFACE_H
#define PLUGININTERFACE_H

#include <QIcon>
#include <QObject>
#include <QString>

class PluginHost;
class QByteArray;
class QEvent;
class QTabWidget;
class QWidget;

// The host's plug-in interface. The order of the virtual operations is the
// host's binary contract: never reorder, never insert.
class PluginInterface
{
public:
    virtual ~PluginInterface() {}
    virtual QString GetPluginName() = 0;
    virtual QString GetName() = 0;
    virtual QIcon GetIcon() { return QIcon(); }
    virtual int Reserved5(int) { return 0; }
    virtual int Reserved6() { return 0; }
    virtual QWidget *CreateWidget(QWidget * /*unused*/, QTabWidget * /*tabs*/) { return nullptr; }
    virtual int Reserved8(int) { return 0; }
    virtual int Reserved9() { return 0; }
    virtual int Reserved10(int) { return 0; }
    virtual int Reserved11() { return 0; }
    virtual void SetHost(PluginHost * /*host*/) {}
    virtual int Reserved13() { return 0; }
    virtual void BindMap(int /*unused*/, int /*mapId*/) {}
    virtual void OnServerReply(QByteArray & /*command*/, QByteArray & /*body*/) {}
    virtual void OnTabActivated(int /*mapId*/) {}
    virtual void Reserved17(int, int, int) {}
    virtual void Reserved18(int, int, int) {}
    virtual QString GetVersion() { return QString("5.4") + "." + "120:2f43adc8af0b"; }
    virtual void OnClose(QEvent * /*event*/) {}
    virtual int Reserved21() { return 0; }
    virtual void Reserved22(int, int) {}
    virtual int Reserved23() { return 0; }
};

#define PluginInterface_iid "com.orvind.Halvo5.PluginInterface/1.0"
Q_DECLARE_INTERFACE(PluginInterface, PluginInterface_iid)

#endif // PLUGININTERFACE_H
