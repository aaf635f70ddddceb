// An empty program linked with the payload's resources: what the store alone weighs.
int main() {
    return 0;
}
