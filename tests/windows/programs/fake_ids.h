// Resource identifiers of the payload the fake SteamCMD carries.
#pragma once

#define FAKE_PAYLOAD_LAUNCHER 201
#define FAKE_PAYLOAD_SERVER 202
