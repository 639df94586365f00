#include "investigate/address_names.h"
