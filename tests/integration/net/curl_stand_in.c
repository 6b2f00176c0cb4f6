/* A library named like libcurl that has none of its functions. */
int kx58_curl_stand_in(void) { return 0; }
