#include "comm/KAVHostQueries.h"

namespace orv {

namespace {

using HostQuery = std::string (KAVLink::*)();

std::function<void(TCPLateReply)> OnWorker(KAVLink& link, HostQuery query) {
    return [&link, query](TCPLateReply reply) {
        if (!link.Submit([&link, query, reply] { reply((link.*query)()); })) reply(KAVNoAnswerText());
    };
}

}  // namespace

ExComKAVQueries KAVQueriesForExCom(KAVLink& link) {
    return {[&link] { return link.HostStatusAll(); }, [&link] { return link.HostPortStatus(); }};
}

TCPKAVQueries KAVQueriesForTCP(KAVLink& link) {
    return {OnWorker(link, &KAVLink::HostStatusAll), OnWorker(link, &KAVLink::HostPortStatus)};
}

}  // namespace orv
