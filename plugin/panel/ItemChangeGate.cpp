#include "ItemChangeGate.h"

#include <QObject>

ItemChangeGate::ItemChangeGate(std::function<QMetaObject::Connection()> connect)
    : m_connect(std::move(connect))
{
}

void ItemChangeGate::open()
{
    if (!m_connection)
        m_connection = m_connect();
}

void ItemChangeGate::cut()
{
    QObject::disconnect(m_connection);
    m_connection = QMetaObject::Connection();
}

ItemChangeGate::Muted::Muted(ItemChangeGate &gate)
    : m_gate(gate)
    , m_wasOpen(gate.isOpen())
{
    m_gate.cut();
}

ItemChangeGate::Muted::~Muted()
{
    if (m_wasOpen)
        m_gate.open();
}
