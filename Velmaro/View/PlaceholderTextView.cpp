// The class is all outlets; this unit keeps its header compiling on its own.
#include "Velmaro/View/PlaceholderTextView.h"
