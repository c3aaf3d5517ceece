# Tests of this group are added here.
