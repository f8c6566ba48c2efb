// The program that links one layer of music/ alone (see CMakeLists.txt): it needs
// nothing of the layer, which is taken in whole.
int main()
{
    return 0;
}
