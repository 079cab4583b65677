// Linked with one layer's library whole and only the libraries under it (see
// the CMakeLists.txt at the top): the link fails where a file of the layer
// calls a function of a layer above it.
int main() { return 0; }
