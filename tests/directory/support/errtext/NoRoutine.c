/* A library that loads but lacks the error-text routine. */
int recast_test_placeholder(void) { return 0; }
