/* Not an entry point: a module built with quex_add_module keeps it hidden. */
int quex_consumer_hidden_helper(void);
int quex_consumer_hidden_helper(void) { return 1; }
