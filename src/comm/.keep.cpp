// Keeps the channel library non-empty while it has no other sources.
