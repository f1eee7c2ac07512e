#pragma once
// The HTTP library with this server's limits: a request line and each header line at most 4 KiB,
// a form at most 4 KiB, and enough threads for the office's clients. Included only by the server's
// own files.
#define CPPHTTPLIB_REQUEST_URI_MAX_LENGTH 4096
#define CPPHTTPLIB_HEADER_MAX_LENGTH 4096
#define CPPHTTPLIB_FORM_URL_ENCODED_PAYLOAD_MAX_LENGTH 4096
#define CPPHTTPLIB_THREAD_POOL_COUNT 64
#define CPPHTTPLIB_LISTEN_BACKLOG 128
#include <httplib.h>
