// libFuzzer targets over the wire's and the feeds' readers in core/, without widgets or an
// application object: the build makes one binary per reader family
// (OC_FUZZ_FAMILY), and every input goes through each reader of its family.
// The strict readers must accept only bodies their writers would write again
// byte for byte; the lenient ones must stay within the body and free what they read.
#include "Seeds.h"

#include "feed/NmeaSession.h"
#include "feed/OsmAndRequest.h"
#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/LiveMessages.h"
#include "wire/RequestFailure.h"
#include "wire/StreamRead.h"

#include <QScopedPointer>

#include <cstddef>
#include <cstdint>

namespace {

enum Family { Frames, Live, Failure, Routes, Layers, OsmAnd, Nmea };

template <typename Read, typename Write>
void requireExact(const QByteArray &body, Read read, Write write)
{
    if (const auto value = read(body); value && write(*value) != body)
        __builtin_trap();
}

QDataStream &opened(QDataStream &in)
{
    in.setVersion(QDataStream::Qt_4_5);
    return in;
}

// A receive buffer cut into frames, each read as a request and as a reply.
void readFrames(QByteArray buffer)
{
    const auto bare = [](const auto &message) { return Frame::encode(message).mid(4); };
    QByteArray payload;
    while (Frame::Splitter::take(buffer, &payload) == Frame::Splitter::Complete) {
        requireExact(payload, Frame::decodeRequest, bare);
        requireExact(payload, Frame::decodeReply, bare);
    }
}

void readLive(const QByteArray &body)
{
    using namespace LiveMessages;
    requireExact(body, readPositions, positionsBody);
    requireExact(body, readEvents, eventsBody);
    requireExact(body, readEventsRequest, eventsRequestBody);
    requireExact(body, readStats, statsBody);
}

// A "Fix_routes" body read entry by entry up to the lead -1, as the server
// reads it before it looks anything up; then the panel's route replies.
void readRoutes(const QByteArray &body)
{
    QDataStream in(body);
    opened(in);
    for (qint32 lead = 0; in >> lead, in.status() == QDataStream::Ok && lead != -1;)
        delete RouteMessages::readRoute(in);
    QDataStream reply(body), state(body);
    RouteMessages::readCheckModeReply(opened(reply));
    RouteMessages::readSectionsState(opened(state));
}

// Layer records one after another until the body ends, each freed once read.
void readLayers(const QByteArray &body)
{
    QDataStream in(body);
    opened(in);
    while (StreamRead::canRead(in) && QScopedPointer<GraphObData>(ReadGraphObData(in))) {
    }
}

FuzzSeeds::Seeds seeds(Family family)
{
    using namespace LiveMessages;
    using FuzzSeeds::written;
    const QList<RouteRecord> routes = FuzzSeeds::routes();
    const RequestFailure failure{Commands::FixRoutes, RequestFailure::Busy, "locked"};
    switch (family) {
    case Frames: {
        const auto request = [](const char *command, const QByteArray &body) {
            return Frame::encode(Frame::Request{Commands::ServerName, command, body});
        };
        const QByteArray requests =
            request(Commands::AuthToken, "t") + request(Commands::GetRuleTree, {});
        return {{"requests", requests},
                {"reply", Frame::encode(Frame::Reply{Commands::RequestFailed, failure.body()})}};
    }
    case Failure:
        return {{"request-failed", failure.body()}};
    case Live: {
        const CheckEvent event{3, 1700000000u, 11, "Route A", 1, "Gate", 7, {},
                               CheckEvent::TimeOut, -120};
        return {{"positions", positionsBody({{7, 1700000000u, QPoint(376000000, 556000000)},
                                             {8, 1700000010u, QPoint(-1, 2)}})},
                {"events", eventsBody({event})},
                {"events-request", eventsRequestBody(50)},
                {"stats", statsBody({{"requests", 12}, {{}, -1}})}};
    }
    case Routes:
        return {{"fix-routes", written([&routes](QDataStream &out) {
                     RouteMessages::writeSaveEntry(out, 10, routes[0]);
                     RouteMessages::writeSaveEntry(out, 0, routes[1]);
                     RouteMessages::writeSaveEnd(out, {30});
                 })},
                {"check-mode-on", FuzzSeeds::checkModeOn()},
                {"sections-state", RouteMessages::sectionsStateBody(11, {{1, 1}, {2, 2}, {7, 3}})}};
    case Layers:
        return {{"layer-records", written([](QDataStream &out) {
                     for (const GraphObData &data : FuzzSeeds::layerRecords())
                         WriteGraphObData(out, data);
                 })}};
    case OsmAnd:
        return {{"form", "id=a&lat=1.5&lon=2&timestamp=1700000000&speed=3&hdop=2&valid=0&key=k"},
                {"doc", R"({"device_id":"a","location":{"coords":{"latitude":1,"longitude":2}}})"}};
    case Nmea:
        return {{"rmc", "$PGID,dev1*70\r\n$GNRMC,235959.25,A,0130.0,S,00001.5,W,,,040785*2C\n"},
                {"gga", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n"}};
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSeeds::writeOnRequest(*argc, *argv, [] { return seeds(OC_FUZZ_FAMILY); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 24))
        return 0;
    // Not copied: a read past the input's end is one past the fuzzer's buffer.
    const auto body = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    switch (OC_FUZZ_FAMILY) {
    case Frames: readFrames(body); break;
    case Live: readLive(body); break;
    case Failure:
        requireExact(body, RequestFailure::read, [](const RequestFailure &f) { return f.body(); });
        break;
    case Routes: readRoutes(body); break;
    case Layers: readLayers(body); break;
    case OsmAnd: // an error is one short line
        for (const char *type : {"application/x-www-form-urlencoded", "application/json"}) {
            const auto r = OsmAndRequest::read(OsmAndRequest::Method::Post, body, type, body, 0);
            if (!r.fix && (r.error.isEmpty() || r.error.size() > 200 || r.error.contains('\n')))
                __builtin_trap();
        }
        break;
    case Nmea: NmeaSession().feed(body); break;
    }
    return 0;
}
