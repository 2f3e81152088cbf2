// dt_assets carries only resources; a static library still needs one source.
int dt_assets_anchor()
{
    return 0;
}
