#ifndef ITEMCHANGEGATE_H
#define ITEMCHANGEGATE_H

#include <QMetaObject>

#include <functional>

// The one connection that takes an operator's change of a model's items to
// whoever handles it. Programmatic bulk changes are made with it cut, so that
// they never count as operator edits.
class ItemChangeGate
{
public:
    // connect makes the connection and returns it; the gate starts cut.
    explicit ItemChangeGate(std::function<QMetaObject::Connection()> connect);

    void open();
    void cut();
    bool isOpen() const { return bool(m_connection); }

    // Cuts the gate for the scope's lifetime, then leaves it as it was.
    class Muted
    {
    public:
        explicit Muted(ItemChangeGate &gate);
        ~Muted();
        Muted(const Muted &) = delete;
        Muted &operator=(const Muted &) = delete;

    private:
        ItemChangeGate &m_gate;
        bool m_wasOpen;
    };

private:
    std::function<QMetaObject::Connection()> m_connect;
    QMetaObject::Connection m_connection;
};

#endif // ITEMCHANGEGATE_H
