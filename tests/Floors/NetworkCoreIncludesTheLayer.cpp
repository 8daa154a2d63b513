// Must not compile: the network core never reaches the screens or their helpers.
#include "Velmaro/Helpers/ImageLoading.h"
