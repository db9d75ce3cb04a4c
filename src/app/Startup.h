#pragma once

class TiloraApplication;

// Hands over to a running instance, or creates the windows and runs the event loop.
int RunTilora(TiloraApplication &application);
