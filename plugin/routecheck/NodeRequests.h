#ifndef NODEREQUESTS_H
#define NODEREQUESTS_H

#include <QByteArray>
#include <QHash>
#include <QQueue>

#include <functional>
#include <memory>
#include <optional>

struct RequestFailure;

// A node the panel asked the server to make, as its requests see it.
struct NodeTicket
{
    qint32 id = 0;       // the server's id; 0 until the reply
    bool wanted = true;  // false once undone: deleted as soon as it has an id
    std::function<void(qint32)> answered; // the id came: the row takes it
    std::function<void()> refused;        // the server would not make it
};

// The rule node edits on their way to the server and back. The server answers
// in request order; an add's reply pairs with the oldest add in flight. While
// an add waits for its id, later edits wait behind it, so that every request
// goes out with the ids it names known: each is worked out when it leaves.
class NodeRequests
{
public:
    struct Request
    {
        QByteArray command;
        QByteArray body;
    };
    using Make = std::function<std::optional<Request>()>; // nothing: dropped
    using Send = std::function<void(const QByteArray &command, const QByteArray &body)>;

    explicit NodeRequests(Send send);
    ~NodeRequests();

    void addNode(const std::shared_ptr<NodeTicket> &ticket, Make make);
    // A rename or delete; refused runs when the server will not carry it out.
    void send(Make make, std::function<void()> refused = {});
    // The node's row is gone: the node goes too once it exists.
    void dropNode(const std::shared_ptr<NodeTicket> &ticket);
    // Requests not sent yet belong to a tree being discarded.
    void dropUnsent();

    // An add is queued or unanswered: ids are pending.
    bool busy() const;
    // Replies and failures of node edits; false for any other command.
    bool takeReply(const QByteArray &command, const QByteArray &body);
    bool takeFailure(const RequestFailure &failure);
    // Runs each time the last pending id arrives.
    void setIdle(std::function<void()> idle) { m_idle = std::move(idle); }

private:
    struct Entry
    {
        Make make;
        std::shared_ptr<NodeTicket> ticket; // adds only
        std::function<void()> refused;
    };
    std::optional<Entry> takeSent(const QByteArray &command);
    void sendDelete(qint32 id);
    void pump();
    void settle(bool wasBusy);

    Send m_send;
    QQueue<Entry> m_unsent;
    QHash<QByteArray, QQueue<Entry>> m_sent;
    std::function<void()> m_idle;
};

#endif // NODEREQUESTS_H
