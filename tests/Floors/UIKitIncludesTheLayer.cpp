// Must not compile: the toolkit sees nothing of the layer.
#include "Velmaro/SupportUI.h"
