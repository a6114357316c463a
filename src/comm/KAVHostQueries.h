#pragma once
// The hosts' KAV queries wired to a link: ExCom 43/44 ask on the ExCom poll's
// own thread; TCP/IP 43/54 hand the exchange to the link's worker, and the
// server gets the reply when it ends.

#include "comm/ExCom.h"
#include "comm/KAVLink.h"
#include "comm/TCPPacket.h"

namespace orv {

ExComKAVQueries KAVQueriesForExCom(KAVLink& link);
// A query the worker's queue cannot take is answered at once with "-9999" CR.
TCPKAVQueries KAVQueriesForTCP(KAVLink& link);

}  // namespace orv
