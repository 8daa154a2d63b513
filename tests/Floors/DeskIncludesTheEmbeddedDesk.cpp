// Must not compile: the engine never reaches its in-process face; the face builds on the engine.
#include "CoreSimulator/SupportDesk.h"
