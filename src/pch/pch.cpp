int kalimoPchAnchor = 0;
