// orvctl is linked with the core library only; the client logic it shares with
// the channel library's tests is compiled into it here.
#include "comm/CtlClient.cpp"
