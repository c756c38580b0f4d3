#pragma once

// Export macro of the classes shared by every front end (exceptions, decoders, places, the
// FrontEnd and InputModel bases). In ovref they are built into the front-end library.
#define FRONTEND_API __attribute__((visibility("default")))
#define FRONTEND_C_API FRONTEND_API
