#include "Utility/LexiconGlobals.h"

CCodeTran* g_pCodeTranslator = nullptr;
