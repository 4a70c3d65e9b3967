#include "SocketConnection.h"

SocketConnection::SocketConnection(SOCKET socket, WSAEVENT readEvent, uint32_t session)
    : socket_(socket), readEvent_(readEvent), session_(session) {}

SocketConnection::~SocketConnection() {
    shutdown(socket_, SD_BOTH);
    closesocket(socket_);
    if (readEvent_ != WSA_INVALID_EVENT) WSACloseEvent(readEvent_);
}

void SocketConnection::Break() {
    if (broken_.exchange(true)) return;
    shutdown(socket_, SD_BOTH);
    if (readEvent_ != WSA_INVALID_EVENT) WSASetEvent(readEvent_);
}
