#include "Velmaro/Controllers/UserAccess/StartViewController.h"
