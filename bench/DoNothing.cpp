// The benchmark's yardstick for a command: a console program that does nothing, built with
// Vexa's toolchain and flags. Starting it is what any program costs under the same Wine.
int main()
{
    return 0;
}
