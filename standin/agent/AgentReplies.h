// The agent's methods: from a request's query to the reply body.
#pragma once

#include "Store.h"
#include "UrlQuery.h"

#include <string>

namespace standin {

struct AgentOptions {
    bool newAgent = true;     // keyword topics only with category=topic; otherwise also exact matches
    bool errorBodies = false; // error answers carry a small HTML page
    bool notFoundId = false;  // the not-found page carries an Id meta
};

struct Reply {
    int status = 200;
    std::string contentType;
    std::string body;
};

Reply NotFound(const AgentOptions& options);
Reply BadRequest(const AgentOptions& options);
// Answers the query part of an "ms.help?..." request.
Reply HandleHelpQuery(const Store& store, const AgentOptions& options, const std::string& query);

}  // namespace standin
