#include "HostPages.h"

#include "PanelWidgets.h"

#include <QTabWidget>

HostPages::HostPages(PanelWidgets &widgets)
    : m_widgets(widgets)
{
}

QWidget *HostPages::makePage(QTabWidget *tabs)
{
    m_tabs = tabs;
    const int key = tabs ? tabs->count() - 1 : -1;
    auto *page = new QWidget;
    m_pages.insert(key, page);
    QObject::connect(page, &QObject::destroyed, &m_watch,
                     [this](QObject *dying) { pageDestroyed(dying); });
    if (!m_holder)
        putPanelOn(page);
    return page;
}

bool HostPages::followCurrentTab()
{
    if (!m_tabs || m_pages.isEmpty())
        return false;
    QWidget *page = m_pages.value(m_tabs->currentIndex(), nullptr);
    if (!page)
        return false;
    putPanelOn(page);
    return true;
}

QWidget *HostPages::holder() const
{
    return m_holder;
}

void HostPages::putPanelOn(QWidget *page)
{
    m_holder = page;
    m_widgets.putOn(page);
}

void HostPages::pageDestroyed(QObject *page)
{
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        if (it.value() == page)
            it = m_pages.erase(it);
        else
            ++it;
    }
    if (m_widgets.takeBackFrom(page))
        m_holder = nullptr;
}
