#ifndef HOSTPAGES_H
#define HOSTPAGES_H

#include <QMap>
#include <QObject>
#include <QPointer>

class PanelWidgets;
class QTabWidget;
class QWidget;

// The pages the plug-in made for the host's map tabs, and the one that holds
// the panel now. The host owns the pages and may delete one before the
// plug-in; the page is then forgotten and the panel taken back out of it.
class HostPages
{
public:
    explicit HostPages(PanelWidgets &widgets);

    // A new page for the tab the host is adding, kept under the tab count
    // minus one; the first page made takes the panel.
    QWidget *makePage(QTabWidget *tabs);
    // Moves the panel to the page of the host's current tab. False, and
    // nothing moves, when that tab has no page of ours.
    bool followCurrentTab();

    QWidget *holder() const;
    const QMap<int, QWidget *> &pages() const { return m_pages; }

private:
    void putPanelOn(QWidget *page);
    void pageDestroyed(QObject *page);

    PanelWidgets &m_widgets;
    QMap<int, QWidget *> m_pages;  // the host's, by tab key
    QPointer<QTabWidget> m_tabs;   // the host's, as last handed over
    QPointer<QWidget> m_holder;
    QObject m_watch; // context of the pages' destroyed connections, which go with it
};

#endif // HOSTPAGES_H
