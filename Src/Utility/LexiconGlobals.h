// The process-wide object that the lexicon stores read but the engine owns: the caller-encoding
// converter. Engine start-up creates it for encoding codes 1 to 4 and shut-down deletes it; the
// text importers convert each word through it when it exists, so offline builders keep it null.
#pragma once

class CCodeTran;

extern CCodeTran* g_pCodeTranslator;
