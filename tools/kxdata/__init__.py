"""Derivation of the text sources of the data directory (see data/README.md)."""
