#include "Velmaro/Controllers/UserAccess/UserAccessViewController.h"
