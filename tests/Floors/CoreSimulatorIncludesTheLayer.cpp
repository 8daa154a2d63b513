// Must not compile: a core never reaches the screens or their helpers.
#include "Velmaro/Helpers/ImageLoading.h"
