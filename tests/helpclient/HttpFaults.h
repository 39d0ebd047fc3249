// The faults of a peer that the help client's requests must end on: a table of loopback
// server behaviours with the failure each must give, shared by the request and download
// tests; and short request bounds for the time of a test.
#pragma once

#include "LoopbackServer.h"
#include "UHttpRequest.h"

#include <string>
#include <vector>

namespace httpfaults {

struct Fault {
    const char* Name;
    bool ReadRequest;                  // the server reads the request head first
    loopback::RawServer::THandler Serve;
    THttpFailure Expected;
    uint64_t MaxBytes = 0;             // a smaller reply cap for this case (0: the test bound)
};

// Every fault of the table.
const std::vector<Fault>& Table();

// The bounds while a test runs: connect 1 s, no progress 0.5 s, 2 s a request. Roomy
// ones (10 s, 10 s, 20 s) are for faults that must end in another failure than a time-out:
// on a loaded machine a server thread can be held back longer than the short bounds, which
// the client then rightly calls a time-out.
struct TestLimits {
    THttpLimits Previous;
    explicit TestLimits(uint64_t MaxBytes = 0, bool Roomy = false);
    ~TestLimits();
    static THttpLimits Value(bool Roomy = false);
};

// Waits (handling messages) until no request worker is left; false after Ms.
bool WorkersGone(int Ms);

} // namespace httpfaults
