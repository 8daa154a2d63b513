// Must not compile: helpers and views stand below the screens.
#include "Velmaro/Controllers/UserAccess/StartViewController.h"
