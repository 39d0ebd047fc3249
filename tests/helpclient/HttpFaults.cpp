#include "HttpFaults.h"

#include "../vcl/VclTestSupport.h"

namespace httpfaults {

namespace {

using loopback::RawServer;

const std::string OkHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";

// Holds the connection open until the server ends.
void Hold(RawServer& Server) { Server.Pause(60000); }

} // namespace

const std::vector<Fault>& Table() {
    static const std::vector<Fault> table = {
        {"accept and never answer", true, [](SOCKET, RawServer& s) { Hold(s); }, THttpFailure::TimedOut},
        {"headers then stall", true,
         [](SOCKET c, RawServer& s) {
             RawServer::Send(c, OkHead + "\r\n");
             Hold(s);
         },
         THttpFailure::TimedOut},
        {"long Content-Length and stall", true,
         [](SOCKET c, RawServer& s) {
             RawServer::Send(c, OkHead + "Content-Length: 100000\r\n\r\nabc");
             Hold(s);
         },
         THttpFailure::TimedOut},
        {"close mid-body", true,
         [](SOCKET c, RawServer&) { RawServer::Send(c, OkHead + "Content-Length: 100000\r\n\r\n" + std::string(5000, 'x')); },
         THttpFailure::Incomplete},
        {"broken chunked body", true,
         [](SOCKET c, RawServer&) {
             RawServer::Send(c, OkHead + "Transfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nZZ\r\n");
         },
         THttpFailure::BadReply},
        {"status line only", true, [](SOCKET c, RawServer&) { RawServer::Send(c, "HTTP/1.1 200 OK\r\n"); },
         THttpFailure::BadReply},
        {"500 page", true,
         [](SOCKET c, RawServer&) {
             RawServer::Send(c, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n\r\nerror");
         },
         THttpFailure::Status},
        {"300 MB body", true,
         [](SOCKET c, RawServer& s) {
             if (!RawServer::Send(c, OkHead + "Content-Length: 314572800\r\n\r\n")) return;
             const std::string block(65536, 'x');
             for (int i = 0; i < 4800 && !s.Stopping(); ++i)
                 if (!RawServer::Send(c, block)) return;
         },
         THttpFailure::TooLarge},
        {"more than the cap, no length", true,
         [](SOCKET c, RawServer& s) {
             if (!RawServer::Send(c, OkHead + "\r\n")) return;
             const std::string block(65536, 'x');
             for (int i = 0; i < 48 && !s.Stopping(); ++i)
                 if (!RawServer::Send(c, block)) return;
         },
         THttpFailure::TooLarge, 1u << 20},
        {"garbage then close", true,
         [](SOCKET c, RawServer&) { RawServer::Send(c, "garbage garbage garbage\r\nmore garbage\r\n\r\nand more"); },
         THttpFailure::BadReply},
        {"garbage left open", true,
         [](SOCKET c, RawServer& s) {
             RawServer::Send(c, "garbage garbage garbage\r\nmore garbage\r\n\r\nand more");
             Hold(s);
         },
         THttpFailure::BadReply},
        // One byte a second against the 30 s of the program's bounds: a byte just before
        // the time without progress runs out, so that only the bound of the whole ends it.
        {"trickled headers", true,
         [](SOCKET c, RawServer& s) {
             const std::string reply = OkHead + "Content-Length: 3\r\n\r\nabc";
             for (size_t i = 0; i < reply.size() && s.Pause(300); ++i)
                 if (!RawServer::Send(c, reply.substr(i, 1))) return;
         },
         THttpFailure::TimedOut},
        {"redirect loop", true,
         [](SOCKET c, RawServer&) {
             RawServer::Send(c, "HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n");
         },
         THttpFailure::Redirects},
        {"reset on accept", false, [](SOCKET c, RawServer& s) { s.Reset(c); }, THttpFailure::CannotOpen},
        // Nothing at all before the end: no reply is not a reply that is not HTTP.
        {"closed without a reply", true, [](SOCKET, RawServer&) {}, THttpFailure::CannotOpen},
    };
    return table;
}

THttpLimits TestLimits::Value(bool Roomy) {
    THttpLimits l;
    l.ConnectMs = Roomy ? 10000 : 1000;
    l.StallMs = Roomy ? 10000 : 500;
    l.TotalMs = Roomy ? 20000 : 2000;
    return l;
}

TestLimits::TestLimits(uint64_t MaxBytes, bool Roomy) {
    THttpLimits l = Value(Roomy);
    if (MaxBytes) l.MaxBytes = MaxBytes;
    Previous = SetHttpLimits(l);
}

TestLimits::~TestLimits() { SetHttpLimits(Previous); }

bool WorkersGone(int Ms) { return vcltest::PumpUntil([] { return HttpRequestWorkers() == 0; }, Ms); }

} // namespace httpfaults
