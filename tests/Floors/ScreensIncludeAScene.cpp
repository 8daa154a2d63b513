// Must not compile: the screens do not know the scenes that build them.
#include "Velmaro/Storyboard/StartViewControllerScene.h"
