#include "NodeRequests.h"

#include "shell/PluginLog.h"
#include "wire/Commands.h"
#include "wire/RequestFailure.h"
#include "wire/UnitMessages.h"

namespace {

// A refusal may delete the command that set the callback: run a copy.
void run(const std::function<void()> &callback)
{
    if (const std::function<void()> copy = callback)
        copy();
}

} // namespace

NodeRequests::NodeRequests(Send send)
    : m_send(std::move(send))
{
}

NodeRequests::~NodeRequests() = default;

void NodeRequests::addNode(const std::shared_ptr<NodeTicket> &ticket, Make make)
{
    m_unsent.enqueue(Entry{std::move(make), ticket, {}});
    pump();
}

void NodeRequests::send(Make make, std::function<void()> refused)
{
    m_unsent.enqueue(Entry{std::move(make), nullptr, std::move(refused)});
    pump();
}

void NodeRequests::dropNode(const std::shared_ptr<NodeTicket> &ticket)
{
    const bool known = ticket->wanted && ticket->id != 0;
    ticket->wanted = false;
    if (known)
        sendDelete(ticket->id);
}

void NodeRequests::dropUnsent()
{
    const bool wasBusy = busy();
    m_unsent.clear();
    settle(wasBusy);
}

void NodeRequests::sendDelete(qint32 id)
{
    send([id]() -> std::optional<Request> {
        return Request{Commands::DeleteRuleNode, UnitMessages::idBody(id)};
    });
}

bool NodeRequests::busy() const
{
    if (!m_sent.value(Commands::AddRuleNode).isEmpty())
        return true;
    for (const Entry &entry : m_unsent) {
        if (entry.ticket && entry.ticket->wanted)
            return true;
    }
    return false;
}

void NodeRequests::pump()
{
    while (!m_unsent.isEmpty() && m_sent.value(Commands::AddRuleNode).isEmpty()) {
        Entry entry = m_unsent.dequeue();
        // An add undone before it left never reaches the server.
        if (entry.ticket && !entry.ticket->wanted)
            continue;
        const std::optional<Request> request = entry.make();
        if (!request) {
            qCWarning(ocPlugin) << "a node edit whose row is gone; not sent";
            continue;
        }
        m_send(request->command, request->body);
        m_sent[request->command].enqueue(std::move(entry));
    }
}

std::optional<NodeRequests::Entry> NodeRequests::takeSent(const QByteArray &command)
{
    auto found = m_sent.find(command);
    if (found == m_sent.end() || found->isEmpty()) {
        qCWarning(ocPlugin) << "answer to" << command << "that the panel did not ask for";
        return std::nullopt;
    }
    return found->dequeue();
}

void NodeRequests::settle(bool wasBusy)
{
    pump();
    if (wasBusy && !busy() && m_idle)
        m_idle();
}

bool NodeRequests::takeReply(const QByteArray &command, const QByteArray &body)
{
    if (command != Commands::AddRuleNode && command != Commands::RenameRuleNode
        && command != Commands::DeleteRuleNode)
        return false;
    const bool wasBusy = busy();
    const std::optional<Entry> entry = takeSent(command);
    if (entry && entry->ticket) {
        const std::optional<qint32> id = UnitMessages::readId(body);
        NodeTicket &ticket = *entry->ticket;
        if (!id || *id <= 0) {
            qCWarning(ocPlugin) << "an" << command << "reply without a node id; node dropped";
            if (ticket.wanted)
                run(ticket.refused);
        } else {
            ticket.id = *id;
            if (!ticket.wanted)
                sendDelete(ticket.id);
            else if (ticket.answered)
                ticket.answered(ticket.id);
        }
    }
    settle(wasBusy);
    return true;
}

bool NodeRequests::takeFailure(const RequestFailure &failure)
{
    const QByteArray &command = failure.command;
    if (command != Commands::AddRuleNode && command != Commands::RenameRuleNode
        && command != Commands::DeleteRuleNode)
        return false;
    qCWarning(ocPlugin) << "the server refused" << command << "(code" << failure.code << "):"
                        << failure.reason;
    const bool wasBusy = busy();
    if (const std::optional<Entry> entry = takeSent(command)) {
        if (entry->ticket && entry->ticket->wanted)
            run(entry->ticket->refused);
        else if (!entry->ticket)
            run(entry->refused);
    }
    settle(wasBusy);
    return true;
}
