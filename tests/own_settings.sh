# Sourced by the shell tests: host settings of the test's own. Writes a
# hostnet.conf in folder $1, points QUENTA_HOSTNET_CONF at it and exports
# every other setting the tools read as an explicit empty value, so neither
# the machine's /etc/quenta/hostnet.conf nor the caller's environment
# chooses a host or a setting. The test then sets what it means to use; a
# tool run before it does (or by a test that forgot) gets a simulated host
# in $1, never the machine's default one.
own_host_settings() {
    printf 'host = sqlite:%s/unchosen-host.db\n' "$1" >"$1/hostnet.conf" || return 1
    export QUENTA_HOSTNET_CONF="$1/hostnet.conf" QUENTA_HOSTNET= QUENTA_HOSTNET_DB= \
        QUENTA_HOSTNET_WAIT= QUENTA_OVS_DATAPATH= QUENTA_OVS_PNICS= QUENTA_OVS_APPLY_WAIT= \
        QUENTA_OVN_NB= QUENTA_OVN_TIMEOUT= QUENTA_SSL_PRIVATE_KEY= QUENTA_SSL_CERTIFICATE= \
        QUENTA_SSL_CA_CERT= QUENTA_OVSDB_MAX_MESSAGE=
}
